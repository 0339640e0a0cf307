-- Links between the guide's pages name the Markdown files, as the
-- repository shows them; the HTML pages that Help opens link the HTML.
function Link(link)
  link.target = link.target:gsub("^([%w-]+)%.md(#?)", "%1.html%2")
  return link
end
